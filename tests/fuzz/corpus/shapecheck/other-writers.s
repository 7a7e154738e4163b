VELTAA@@@@@@@@@@JINX0s1t______

shape (
	shape_header ( 00000000 00000000 )
	volumes ( 2
		vol_sphere (
			vector ( 0.5 -0.25 0.5 ) 0.75
		)
		vol_sphere (
			vector ( 0.5 -0.5 0.5 ) 0.707107
		)
	)
	shader_names ( 2
		named_shader ( BlendATexDiff )
		named_shader ( TexDiff )
	)
	texture_filter_names ( 1
		named_filter_mode ( MipLinear )
	)
	points ( 7
		point ( 0 -1.5 1 )
		point ( 1 -1.5 0 )
		point ( 0 -1.5 0 )
		point ( 0 0 1 )
		point ( 1 0 1 )
		point ( 1 0 0 )
		point ( 0 0 0 )
	)
	uv_points ( 4
		uv_point ( 0 0 )
		uv_point ( 1 0 )
		uv_point ( 1 1 )
		uv_point ( 0 1 )
	)
	normals ( 1
		vector ( 0 1 0 )
	)
	sort_vectors ( 1
		vector ( 0.5 -0.5 0.5 )
	)
	colours ( 2
		colour ( 1 1 1 1 )
		colour ( 1 0.5 0.5 0.5 )
	)
	comments ( 1
		comment ( "made (by hand)" )
	)
	matrices ( 2
		matrix BASE ( 1 0 0 0 1 0 0 0 1 0 0 0 )
		matrix PANTOGRAPHBOTTOM1 ( 1 0 0 0 1 0 0 0 1 0 1 0 )
	)
	images ( 2
		image ( "glass (old).ace" )
		image ( a.ace )
	)
	textures ( 2
		texture ( 0 0 -3 ff000000)
		texture ( 1 0 -3 ff000000)
	)
	light_materials ( 1
		light_material ( 00000000 0 1 1 1 12.5 )
	)
	light_model_cfgs ( 1
		light_model_cfg ( 00000000
			uv_ops ( 1
				uv_op_copy ( 1 0 )
			)
		)
	)
	vtx_states ( 2
		vtx_state ( 00000000 0 0 0 00000002 )
		vtx_state ( 00000000 1 -5 0 00000002 )
	)
	prim_states ( 2
		prim_state "glass one" ( 00000000 1
			tex_idxs ( 1 1 ) 0 0 0 0 1
		)
		prim_state ( 00000000 0
			tex_idxs ( 1 0 ) 0 1 0 0 1
		)
	)
	lod_controls ( 1
		lod_control (
			distance_levels_header ( 0 )
			distance_levels ( 1
				distance_level (
					distance_level_header (
						dlevel_selection ( 100 )
						hierarchy ( 2 -1 0 )
					)
					sub_objects ( 2
						sub_object (
							sub_object_header ( 00000400 -1 -1 000001d2 000001c4
								geometry_info ( 2 1 0 6 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 2 6 )
										)
									)
									geometry_node_map ( 2 0 -1 )
								)
								subobject_shaders ( 1 1 )
								subobject_light_cfgs ( 1 0 ) 0
							)
							vertices ( 4
								vertex ( 00000000 3 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 4 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 5 0 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 6 0 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 0 0 4 )
							)
							primitives ( 3
								indexed_point_list ( point_idxs ( 1 0 ) flags ( 1 00000000 ) )
								prim_state_idx ( 0 )
								indexed_trilist (
									vertex_idxs ( 6 3 0 1 3 1 2 )
									normal_idxs ( 2 0 3 0 3 )
									flags ( 2 00000000 00000000 )
								)
							)
						)
						sub_object (
							sub_object_header ( 00000700 0 1 000001d2 000001c4
								geometry_info ( 1 1 0 3 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 1 3 )
										)
									)
									geometry_node_map ( 2 -1 0 )
								)
								subobject_shaders ( 1 0 )
								subobject_light_cfgs ( 1 0 ) 2
							)
							vertices ( 3
								vertex ( 00000000 0 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 1 0 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 2 0 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 1 0 3 )
							)
							primitives ( 2
								prim_state_idx ( 1 )
								indexed_trilist (
									vertex_idxs ( 3 2 0 1 )
									normal_idxs ( 1 0 3 )
									flags ( 1 00000000 )
								)
							)
						)
					)
				)
			)
		)
	)
	animations ( 1
		animation ( 20 30
			anim_nodes ( 2
				anim_node BASE (
					controllers ( 2
						tcb_pos ( 1
							tcb_pos_key ( 0 0 0 0 0 0 0 0 0 )
						)
						linear_pos ( 2
							linear_key ( 0 0 0 0 )
							linear_key ( 20 1 0 0 )
						)
					)
				)
				anim_node PANTOGRAPHBOTTOM1 (
					controllers ( 1
						tcb_rot ( 2
							tcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )
							tcb_key ( 10 -0 -0.247404 -0 0.968912 0 0 0 0 0 )
						)
					)
				)
			)
		)
	)
)
